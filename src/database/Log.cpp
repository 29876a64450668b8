#include "database/Log.h"

Q_LOGGING_CATEGORY(lcDatabase, "quorvel.database")
