#include "desktop/Log.h"

Q_LOGGING_CATEGORY(lcDesktop, "quorvel.desktop")
