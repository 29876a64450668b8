#include "platform/linux/Log.h"

Q_LOGGING_CATEGORY(lcPlatform, "quorvel.platform")
