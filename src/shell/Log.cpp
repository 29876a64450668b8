#include "shell/Log.h"

Q_LOGGING_CATEGORY(lcShell, "quorvel.shell")
