#include "platform/file_system.h"

namespace tnk {}  // namespace tnk
