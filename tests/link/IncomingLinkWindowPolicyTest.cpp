#include "ferrywise/link/IncomingLinkWindowPolicy.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {}  // namespace
}  // namespace ferrywise
