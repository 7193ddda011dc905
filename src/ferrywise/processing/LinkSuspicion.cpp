#include "ferrywise/processing/LinkSuspicion.hpp"
