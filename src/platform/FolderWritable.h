#pragma once

#include <QString>

// True when files can be created in the folder. On Windows the folder's
// attributes say nothing about its access list (Program Files looks writable
// and is not, for a user), so it is found by trying.
bool FolderWritable(const QString& folder);
