#pragma once

#include <QLoggingCategory>

// What each read gave and how long it took, at the info level, off unless enabled
// (QT_LOGGING_RULES=quorvel.live.info=true); never a label.
Q_DECLARE_LOGGING_CATEGORY(lcLive)
