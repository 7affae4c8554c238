#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "rigconfig/exercisedialog.h"

namespace {
QPushButton* Button(QWidget& w, const QString& text) {
  for (auto* b : w.findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}
}  // namespace

TEST(ExerciseDialog, PreselectsTheFirstExerciseAndReportsLoadOrCancel) {
  TExerciseDialog dialog("Heat Rig", "Heat Rig", {"Exercise 1 - heating", "Exercise 2 - flow"}, true);
  const auto radios = dialog.findChildren<QRadioButton*>();
  ASSERT_EQ(radios.size(), 2);
  EXPECT_TRUE(radios[0]->isChecked());
  EXPECT_EQ(dialog.ItemIndex(), 0);
  radios[1]->setChecked(true);
  Button(dialog, "Load")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.Cancelled());
  EXPECT_EQ(dialog.ItemIndex(), 1);
  Button(dialog, "Cancel")->click();
  EXPECT_TRUE(dialog.Cancelled());
  EXPECT_NE(dialog.findChild<QLabel*>("EducationalLogo"), nullptr);
  EXPECT_NE(dialog.findChild<QLabel*>("WalkThroughNote"), nullptr);
  if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty()) {
    dialog.show();
    dialog.grab().save(QString::fromLocal8Bit(dir) + "/exercisedialog.png");
  }
}

TEST(ExerciseDialog, IndustrialRigsHaveNoHelpAndNoWalkThroughNote) {
  TExerciseDialog dialog("Plant", "Plant", {"A"}, false);
  EXPECT_FALSE(Button(dialog, "Help")->isEnabled());
  EXPECT_NE(dialog.findChild<QLabel*>("IndustrialLogo"), nullptr);
  EXPECT_EQ(dialog.findChild<QLabel*>("WalkThroughNote"), nullptr);
}
