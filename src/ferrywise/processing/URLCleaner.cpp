#include "ferrywise/processing/URLCleaner.hpp"
