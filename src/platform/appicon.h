#pragma once
// The program's icon, drawn by our own code: a tank with a heater, its level, and a rising trace on
// a small chart - a rig and its results. The same drawing makes the installed theme icons and the
// icon of every window, so a build tree and an installed copy look alike.

#include <QIcon>

class QPainter;

class TAppIcon {
 public:
  // The icon on a size x size square, onto a transparent image.
  static void Draw(QPainter& p, int size);
  // The icon at the sizes windows and task bars ask for.
  static QIcon Icon();
};
