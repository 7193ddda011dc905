#include "ferrywise/freedesktop/CurlHttpClient.hpp"
