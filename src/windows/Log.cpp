#include "windows/Log.h"

Q_LOGGING_CATEGORY(lcWindows, "quorvel.windows")
