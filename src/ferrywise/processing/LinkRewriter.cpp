#include "ferrywise/processing/LinkRewriter.hpp"
