#include "ferrywise/processing/LinkSafety.hpp"
