#pragma once
// Pictures of the rig's config folder named by a definition row. A picture that cannot be opened
// is reported once (per file, for the program's life) and comes back empty: the item then shows
// nothing rather than a broken image.

#include <QPixmap>
#include <QString>

class TRigPicture {
 public:
  // config\<name> of the rig folder; `item` names the diagram item in the report.
  static QPixmap Load(const QString& name, const QString& item);
  static QString MissingText(const QString& path, const QString& item);
};
