#pragma once

namespace ferrywise {}  // namespace ferrywise
