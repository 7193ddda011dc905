#include "ferrywise/processing/ShortLinkResolver.hpp"
