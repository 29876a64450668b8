#include "packs/Log.h"

Q_LOGGING_CATEGORY(lcPacks, "quorvel.packs")
