#pragma once
// File names written the Windows way in rig sheets ("config\run.vts", "HELP\Pumps.htm") found on
// this file system: "\" becomes "/", and each part that does not exist with its exact case is
// matched without case, so a rig folder copied from a Windows machine still loads.

#include <QString>

namespace filenames {

// `relative` joined to `folder` and resolved as above. When nothing matches, the joined name with
// "/" separators (and the exact case) is returned, so a "not found" message names what was sought.
QString Resolve(const QString& folder, const QString& relative);
// The same for a name that may already be absolute.
QString ResolvePath(const QString& path);
// Windows "\" separators to "/".
QString ToSlashes(QString name);
// Copies the folder `from` with everything in it (hidden files too) to `to`, making folders as
// needed; false when anything could not be copied.
bool CopyTree(const QString& from, const QString& to);

}  // namespace filenames
