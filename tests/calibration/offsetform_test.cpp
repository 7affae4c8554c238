// The sensor offset dialog: created as 0 when the rig has none, remembered in the rig's registry
// key, and a field that does not read refused without losing the offset.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QUuid>

#include "calibration/offsetform.h"
#include "rigconfig/registry.h"
#include "rigconfig/rigconfig.h"
#include "support/scriptedprompts.h"

TEST(OffsetForm, RemembersTheOffsetInTheRigsKey) {
  TRigConfig rig(nullptr, nullptr, nullptr);
  rig.RegistryKey = TRegistry::RigKey("Offset Rig " + QUuid::createUuid().toString(QUuid::Id128), 1.0);
  TScriptedPrompts prompts;
  {
    TOffsetForm form(rig);
    EXPECT_EQ(form.Offset(), 0);
    ASSERT_TRUE(rig.Reg().OpenKey(rig.RegistryKey, false));
    EXPECT_TRUE(rig.Reg().ValueExists("TDC Offset"));
    EXPECT_EQ(rig.Reg().ReadFloat("TDC Offset"), 0);
    form.show();
    EXPECT_EQ(form.OffsetEdit->text(), "0");
    if (const QByteArray dir = qgetenv("QUORLEX_SHOTS"); !dir.isEmpty())
      form.grab().save(QString::fromLocal8Bit(dir) + "/offset.png");

    form.OffsetEdit->setText("12,5");
    prompts.ExpectMessage("'12,5' is not a valid offset");
    form.okClick();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Offset(), 0);

    form.OffsetEdit->setText("-12.5");
    form.okClick();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Offset(), -12.5);
  }
  // A later start finds it.
  TOffsetForm again(rig);
  EXPECT_EQ(again.Offset(), -12.5);
  const IOffsetProvider& provider = again;
  EXPECT_EQ(provider.Offset(), -12.5);
  again.show();
  EXPECT_EQ(again.OffsetEdit->text(), "-12.5");
  ASSERT_TRUE(rig.Reg().OpenKey(rig.RegistryKey, false));
  rig.Reg().DeleteValue("TDC Offset");
}
