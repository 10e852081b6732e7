// The support log's category for the user's files: each failure to read or
// write one (a file not made yet is none).
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcFiles)
