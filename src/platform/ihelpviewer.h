#pragma once
// The help viewer: pages of a help "file" shown by contents, context number or topic. The help
// file names are those a rig names (".chm" or ".hlp"); the viewer finds their pages on disk.

#include <QString>

class IHelpViewer {
 public:
  virtual ~IHelpViewer() = default;
  virtual void ShowContents(const QString& helpFile) = 0;
  virtual void ShowContext(const QString& helpFile, int context) = 0;
  // `topic` is a page path inside the help file ("Description\Overview.htm") or a topic name.
  virtual void ShowTopic(const QString& helpFile, const QString& topic) = 0;
};
