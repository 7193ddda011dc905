#pragma once

namespace ferrywise::freedesktop {}  // namespace ferrywise::freedesktop
