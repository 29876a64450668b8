#include "live/Log.h"

Q_LOGGING_CATEGORY(lcLive, "quorvel.live", QtWarningMsg)
