#include "ferrywise/settings/RoutingStatistics.hpp"
