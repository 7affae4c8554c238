// Random input from outside never brings the simulator down, and it still answers afterwards.
#include <gtest/gtest.h>

#include <random>

#include "inverter.h"
#include "legacydevice.h"
#include "plantmodel.h"
#include "serialcard.h"

namespace {
QByteArray RandomBytes(std::mt19937& rng, int maxSize, const QByteArray& alphabet = {}) {
  QByteArray out(int(rng() % (maxSize + 1)), '\0');
  for (char& c : out) c = alphabet.isEmpty() ? char(rng()) : alphabet[int(rng() % alphabet.size())];
  return out;
}
}  // namespace

TEST(Fuzz, SerialCardSurvivesRandomCommandsAndStillIdentifies) {
  TPlantModel plant;
  TInverter inverter(TInverter::TType::Varnok, 1, {});
  TSerialCard card({TCardKind::Vexa, "Vexa", '0'}, 0, plant, inverter);
  QByteArray last;
  QObject::connect(&card, &TSerialCard::Reply, [&](const QByteArray& f) { last = f; });
  std::mt19937 rng(11);
  // Mostly command-like text, so the parsers get past their first characters.
  const QByteArray alphabet = "IAMODFCTHSRO0123456789,+-\r\x01\x03\x05 ";
  for (int i = 0; i < 3000; ++i) card.Receive(RandomBytes(rng, 24, i % 3 ? alphabet : QByteArray()));
  card.Receive("\r\rARM\r");
  EXPECT_EQ(last, QByteArray("VELTRIM-IFD-2.3-Vexa-0.\x9D\r"));
}

TEST(Fuzz, DeviceSurvivesRandomCalls) {
  TPlantModel plant;
  TInverter inverter(TInverter::TType::Pellor, 2, {"H10"});
  TLegacyDevice device({TCardKind::Vexa, "Vexa", '0'}, 0, plant, inverter);
  std::mt19937 rng(12);
  const quint32 codes[] = {TLegacyDevice::GetSCAN, TLegacyDevice::GetRAM, TLegacyDevice::SetRAM,
                           TLegacyDevice::GetPort, TLegacyDevice::SetPort, 0, 0xFFFFFFFF};
  for (int i = 0; i < 5000; ++i) {
    const TLegacyDevice::TAnswer a = device.Call(codes[rng() % 7], RandomBytes(rng, 6), rng() % 200);
    EXPECT_TRUE(a.Ok || a.Data.isEmpty());
  }
  EXPECT_EQ(device.Call(TLegacyDevice::GetPort, QByteArray(2, '\0'), 1).Data.size(), 1);
}

TEST(Fuzz, PlantFilesWithRandomDamageAreRefusedOrLoaded) {
  const QByteArray good = "[plant]\nseed = 2\n[ai0]\nsource = min(AO0, 5) * 2 ^ -1 + (AI1 > 3)\ntau = 1\n"
                          "[di1]\nschedule = 0:1, 2:0\nperiod = 4\n[freq3]\nsource = if(DO2, 100, T)\n";
  std::mt19937 rng(13);
  for (int i = 0; i < 2000; ++i) {
    QByteArray text = good;
    for (int k = 0; k < 3; ++k) text[int(rng() % text.size())] = char(rng() % 128);
    TPlantModel plant;
    QString error;
    if (!plant.Load(text, &error)) {
      EXPECT_FALSE(error.isEmpty());
      continue;
    }
    plant.AdvanceTo(3);
    plant.SetAnalogueOutput(0, 100);
    EXPECT_GE(plant.AnalogueInput(0), -2048);
    EXPECT_LE(plant.FrequencyCount(3), 65535);
  }
}
