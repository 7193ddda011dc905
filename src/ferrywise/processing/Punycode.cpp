#include "ferrywise/processing/Punycode.hpp"
