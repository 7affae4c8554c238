#include "acquisition/rigpicture.h"

#include <QSet>

#include "platform/filenames.h"
#include "platform/iprompts.h"
#include "platform/services.h"
#include "rigconfig/rigconfig.h"

QString TRigPicture::MissingText(const QString& path, const QString& item) {
  return QStringLiteral("The picture %1 of the diagram item \"%2\" cannot be opened; the item is not shown.")
      .arg(path, item);
}

QPixmap TRigPicture::Load(const QString& name, const QString& item) {
  static QSet<QString> reported;
  const QString folder = TServices::Rig() ? TServices::Rig()->PathName : QString();
  const QString relative = QStringLiteral("config/") + filenames::ToSlashes(name);
  const QString path = folder.isEmpty() ? filenames::ResolvePath(relative) : filenames::Resolve(folder, relative);
  QPixmap picture;
  if (!name.trimmed().isEmpty() && picture.load(path)) return picture;
  if (!reported.contains(path)) {
    reported.insert(path);
    TServices::Prompts().MessageDlg(MissingText(path, item), TMsgDlgType::mtWarning, TMsgDlgButtons::OK);
  }
  return QPixmap();
}
