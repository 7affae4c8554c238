// The reply path: bytes cut at the registered terminators into card-marker/code/data messages.
#include <gtest/gtest.h>

#include <random>

#include "fakeportbench.h"
#include "ifd/serial/apdcomportex.h"
#include "ifd/serial/availableports.h"
#include "ifd/serial/datatriggerrep.h"
#include "ifd/serial/replycollector.h"
#include "ifd/serial/serialmessage.h"
#include "support/scriptedprompts.h"

namespace {
QByteArray Reply(const QByteArray& data, unsigned char code) { return data + static_cast<char>(code) + '\r'; }

// A whole single-ended "IA" answer: inputs 0-15 reading -50, -40, ... 100.
QByteArray SixteenAnalogueReplies() {
  QByteArray sixteen;
  for (int i = 0; i < 16; ++i) sixteen += Reply(QByteArray::number(i * 10 - 50), 0x86);
  return sixteen;
}

// One card port in logging mode, fed directly with bytes.
struct TReplyBench {
  explicit TReplyBench(const QString& name = QStringLiteral("ms"), bool vexa = false, bool aux = false)
      : Replies(aux), Auxiliary(aux) {
    Port.SetName(name);
    Rep().regTriggers();
    Replies.SetVexaMode(vexa);
    Port.SetOnDataAvail([this](TApdComPortEx& p, const QByteArray& b) { Replies.BytesReceived(p, b); });
    Port.SetOnTriggerAvail([this](TApdComPortEx& p, std::uint16_t h) { Replies.TriggerMatched(p, h); });
  }
  TDataTriggerRep& Rep() { return TDataTriggerRep::ForPort(Port); }
  QStringList Feed(const QByteArray& bytes) {
    Port.ReceiveBytes(bytes);
    return TFakePortBench::Drain().In;
  }
  QStringList FeedInChunks(const QByteArray& bytes, const std::vector<qsizetype>& sizes) {
    qsizetype at = 0;
    for (size_t i = 0; at < bytes.size(); ++i) {
      const qsizetype n = sizes.empty() ? 1 : sizes[i % sizes.size()];
      Port.ReceiveBytes(bytes.mid(at, n));
      at += n;
    }
    return TFakePortBench::Drain().In;
  }
  TApdComPortEx Port;
  TReplyCollector Replies;
  bool Auxiliary;
};

class ReplyPath : public ::testing::Test {
 protected:
  TFakePortBench FBench;  // resets the queues before and after
  TScriptedPrompts FPrompts;
};
}  // namespace

TEST_F(ReplyPath, RegistersAllTriggersAndUnregistersToZero) {
  TReplyBench bench;
  EXPECT_TRUE(bench.Rep().ValidTriggersSet());
  EXPECT_EQ(bench.Rep().RegisteredTriggers(), 34);
  EXPECT_EQ(bench.Port.TriggerCount(), 34);
  // Registering again starts from a clean set.
  EXPECT_TRUE(bench.Rep().regTriggers());
  EXPECT_EQ(bench.Rep().RegisteredTriggers(), 34);
  EXPECT_EQ(bench.Port.TriggerCount(), 34);
  EXPECT_TRUE(bench.Rep().unregTriggers());
  EXPECT_EQ(bench.Rep().RegisteredTriggers(), 0);
  EXPECT_EQ(bench.Port.TriggerCount(), 0);
  EXPECT_FALSE(bench.Rep().ValidTriggersSet());
  // Without triggers a complete reply produces nothing.
  EXPECT_TRUE(bench.Feed(Reply("123", 0x85)).isEmpty());
}

TEST_F(ReplyPath, DigitalInputReplyBecomesOneMessage) {
  TReplyBench bench;
  EXPECT_EQ(bench.Feed(Reply("123", 0x85)), QStringList{"ms133123"});
  const TSerialMessage message = TSerialMessage::SplitCodeAndData("ms133123");
  EXPECT_EQ(message.CardMarker, "ms");
  EXPECT_EQ(message.Code, 133);
  EXPECT_EQ(message.Data, "123");
  EXPECT_EQ(message.Role, TApdComPortRole::ms);
}

TEST_F(ReplyPath, AnalogueRepliesAreCollectedByInputMode) {
  TReplyBench bench;
  const QByteArray sixteen = SixteenAnalogueReplies();
  bench.Rep().SetCollectorSize(TIFDInputMode::SE);
  bench.Rep().RequestAnswer(bench.Auxiliary);
  EXPECT_EQ(bench.Feed(sixteen),
            QStringList{"ms134 -50 -40 -30 -20 -10 0 10 20 30 40 50 60 70 80 90 100"});
  bench.Rep().SetCollectorSize(TIFDInputMode::NONE);
  bench.Rep().RequestAnswer(bench.Auxiliary);
  EXPECT_EQ(bench.Feed(Reply("7", 0x86) + Reply("8", 0x86)), (QStringList{"ms134 7", "ms134 8"}));
  EXPECT_EQ(bench.Rep().DiscardedAnswers(), 0);
}

TEST_F(ReplyPath, AnAnswerLongerThanTheModeIsRefusedAndToldOnce) {
  // A card answering sixteen values to a rig that expects eight (its mode set differently): a
  // loss could shorten such an answer to eight, so none of its answers is placed on channels.
  TReplyBench bench;
  int mismatches = 0, lost = 0;
  bench.Rep().OnModeMismatch = [&](bool, int values) {
    ++mismatches;
    EXPECT_EQ(values, 16);
  };
  bench.Rep().OnAnswerLost = [&](bool) { ++lost; };
  const QByteArray sixteen = SixteenAnalogueReplies();
  bench.Rep().SetCollectorSize(TIFDInputMode::DIFF);
  bench.Rep().RequestAnswer(bench.Auxiliary, 1);
  EXPECT_EQ(bench.Feed(sixteen + Reply("3", 0x85)), QStringList{"ms1333"});
  // Every second value lost: eight arrive, and still nothing is taken.
  QByteArray everySecond;
  for (int i = 0; i < 16; i += 2) everySecond += Reply(QByteArray::number(i), 0x86);
  bench.Rep().RequestAnswer(bench.Auxiliary, 1);
  EXPECT_EQ(bench.Feed(everySecond + Reply("3", 0x85)), QStringList{"ms1333"});
  EXPECT_EQ(mismatches, 1);
  EXPECT_EQ(lost, 2);
  EXPECT_TRUE(bench.Rep().ModeMismatch(false));
  // The rig's mode set again starts afresh.
  bench.Rep().SetCollectorSize(TIFDInputMode::SE);
  bench.Rep().RequestAnswer(bench.Auxiliary, 1);
  EXPECT_EQ(bench.Feed(sixteen + Reply("3", 0x85)),
            (QStringList{"ms134 -50 -40 -30 -20 -10 0 10 20 30 40 50 60 70 80 90 100", "ms1333"}));
  // Values nobody asked for are no answer either.
  const int discarded = bench.Rep().DiscardedAnswers();
  EXPECT_TRUE(bench.Feed(Reply("1", 0x86)).isEmpty());
  EXPECT_EQ(bench.Rep().DiscardedAnswers(), discarded + 1);
}

TEST_F(ReplyPath, AnAnswerIsTakenOnlyWithEveryReplyBehindIt) {
  TReplyBench bench;
  int lost = 0;
  bench.Rep().OnAnswerLost = [&](bool) { ++lost; };
  bench.Rep().SetCollectorSize(TIFDInputMode::DIFF);
  QByteArray seven, eight;
  for (int i = 1; i <= 7; ++i) seven += Reply(QByteArray::number(i), 0x86);
  for (int i = 11; i <= 18; ++i) eight += Reply(QByteArray::number(i), 0x86);
  const QByteArray di1 = Reply("5", 0x85), di3 = Reply("6", 0x9F);
  bench.Replies.SetVexaMode(true);
  // A Vexa's tick: "IA", "DI1", "DI3". Whole once both digital replies are in.
  bench.Rep().RequestAnswer(bench.Auxiliary, 2);
  EXPECT_EQ(bench.Feed(eight + di1), QStringList{"ms1335"});
  EXPECT_EQ(bench.Feed(di3), (QStringList{"ms134 11 12 13 14 15 16 17 18", "ms1596"}));
  // One value lost: the digital replies end it short.
  bench.Rep().RequestAnswer(bench.Auxiliary, 2);
  EXPECT_EQ(bench.Feed(seven + di1 + di3), (QStringList{"ms1335", "ms1596"}));
  EXPECT_EQ(lost, 1);
  // Eight values but a reply behind them lost: the line lost something this tick, and eight
  // values may be what is left of a longer answer.
  bench.Rep().RequestAnswer(bench.Auxiliary, 2);
  EXPECT_EQ(bench.Feed(eight + di1), QStringList{"ms1335"});
  bench.Rep().RequestAnswer(bench.Auxiliary, 2);
  EXPECT_EQ(lost, 2);
  // Replies to the last tick's other commands may still come before the answer: they leave the
  // request waiting.
  EXPECT_EQ(bench.Feed(di1 + di3 + eight + di1 + di3),
            (QStringList{"ms1335", "ms1596", "ms1335", "ms134 11 12 13 14 15 16 17 18", "ms1596"}));
  // Lost entirely: the next request gives it up.
  bench.Rep().RequestAnswer(bench.Auxiliary, 2);
  bench.Rep().RequestAnswer(bench.Auxiliary, 2);
  EXPECT_EQ(lost, 3);
  EXPECT_EQ(bench.Rep().DiscardedAnswers(), 3);
}

TEST_F(ReplyPath, ModeChangeMidAnswerStartsAFreshCollection) {
  // Shrinking the size after ten values must not leave a count that never meets the size again.
  TReplyBench bench;
  bench.Rep().SetCollectorSize(TIFDInputMode::SE);
  QByteArray ten;
  for (int i = 0; i < 10; ++i) ten += Reply("1", 0x86);
  bench.Rep().RequestAnswer(bench.Auxiliary);
  EXPECT_TRUE(bench.Feed(ten).isEmpty());
  bench.Rep().SetCollectorSize(TIFDInputMode::DIFF);
  QByteArray eight;
  for (int i = 0; i < 8; ++i) eight += Reply("2", 0x86);
  EXPECT_EQ(bench.Feed(eight + Reply("1", 0x85)), (QStringList{"ms134 2 2 2 2 2 2 2 2", "ms1331"}));
}

TEST_F(ReplyPath, SecondPortUsesTheAuxiliaryCollector) {
  TReplyBench bench(QStringLiteral("sl"), false, true);
  bench.Rep().SetCollectorSize(TIFDInputMode::DIFF);
  bench.Rep().RequestAnswer(bench.Auxiliary);
  QByteArray eight;
  for (int i = 1; i <= 8; ++i) eight += Reply(QByteArray::number(i), 0x86);
  EXPECT_EQ(bench.Feed(eight + Reply("0", 0x85)), (QStringList{"sl134 1 2 3 4 5 6 7 8", "sl1330"}));
  EXPECT_EQ(bench.Rep().AIsTrCallsMain(), 0);
}

TEST_F(ReplyPath, FilterDiffersBetweenVexaAndOtherMode) {
  TReplyBench other;
  EXPECT_EQ(other.Feed(Reply("OK12", 0x80)), QStringList{"ms12812"});
  TReplyBench vexa(QStringLiteral("ms"), true);
  EXPECT_EQ(vexa.Feed(Reply("OK12", 0x80)), QStringList{"ms128OK12"});
  // Blanks, "*", "~" and control bytes never reach the text; an all-filtered reply arrives empty.
  EXPECT_EQ(other.Feed(Reply(" *~\x01\x1f", 0x99)), QStringList{"ms153"});
}

TEST_F(ReplyPath, VexaOnlyRepliesAndTheInverterFrame) {
  TReplyBench other;
  EXPECT_TRUE(other.Feed(Reply("12", 0x9F) + Reply("", 0xA0) + Reply("\x02RA05", 0x9E)).isEmpty());
  // ...and the text before them is dropped, not carried into the next reply.
  EXPECT_EQ(other.Feed(Reply("5", 0x85)), QStringList{"ms1335"});

  TReplyBench vexa(QStringLiteral("ms"), true);
  EXPECT_EQ(vexa.Feed(Reply("12", 0x9F) + Reply("", 0xA0)), (QStringList{"ms15912", "ms160"}));
  // The inverter reply goes out raw, its terminator included.
  const QByteArray frame("\x02RA05\x01\x03", 7);
  EXPECT_EQ(vexa.Feed(Reply(frame, 0x9E)), QStringList{"ms158" + QString::fromLatin1(frame + "\x9E\r")});
}

TEST_F(ReplyPath, EndOfLineKeepsTheTextForTheNextReply) {
  TReplyBench bench;
  EXPECT_TRUE(bench.Feed("12\x0B\r").isEmpty());
  EXPECT_EQ(bench.Feed(Reply("34", 0x85)), QStringList{"ms1331234"});
}

TEST_F(ReplyPath, IdentificationAndEveryPlainCode) {
  TReplyBench bench;
  EXPECT_EQ(bench.Feed(Reply("Vexa-IFD-V2.1-Vexa:0:", 0x9D)), QStringList{"ms157Vexa-IFD-V2.1-Vexa:0:"});
  QByteArray all;
  QStringList expected;
  for (int code = 0x80; code <= 0x9C; ++code) {
    if (code == 0x86) continue;  // collected
    all += Reply("7", static_cast<unsigned char>(code));
    expected << QStringLiteral("ms%1").arg(code) + "7";
  }
  EXPECT_EQ(bench.Feed(all), expected);
}

TEST_F(ReplyPath, SameMessagesHoweverTheBytesArrive) {
  // A stream with every kind of reply, partial "IA" sets, eol, unknown codes and noise.
  std::mt19937 random(20240611);
  QByteArray stream;
  for (int i = 0; i < 400; ++i) {
    switch (random() % 7) {
      case 0: stream += Reply(QByteArray::number(int(random() % 256)), 0x85); break;
      case 1: stream += Reply(QByteArray::number(int(random() % 4096) - 2048), 0x86); break;
      case 2: stream += Reply("OK", static_cast<unsigned char>(0x80 + random() % 4)); break;
      case 3: stream += Reply("Brenna-IFD-1.0-Brnn:1:", 0x9D); break;
      case 4: stream += "9\x0B\r"; break;
      case 5: stream += Reply("55", 0xC3); break;  // unknown code
      case 6: stream += QByteArray("\x01 zz\xff", 5); break;  // noise
    }
  }
  QStringList whole;
  {
    TReplyBench bench;
    bench.Rep().SetCollectorSize(TIFDInputMode::DIFF);
    whole = bench.Feed(stream);
  }
  ASSERT_GT(whole.size(), 150);
  {
    TReplyBench bench;
    bench.Rep().SetCollectorSize(TIFDInputMode::DIFF);
    EXPECT_EQ(bench.FeedInChunks(stream, {1}), whole);
  }
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 sizes(seed);
    std::vector<qsizetype> chunks;
    for (int i = 0; i < 97; ++i) chunks.push_back(1 + sizes() % 40);
    TReplyBench bench;
    bench.Rep().SetCollectorSize(TIFDInputMode::DIFF);
    EXPECT_EQ(bench.FeedInChunks(stream, chunks), whole) << "seed " << seed;
  }
}

TEST_F(ReplyPath, CutAndJoinedReplies) {
  TReplyBench bench;
  // A reply cut in the middle of its terminator, completed by the next read.
  EXPECT_TRUE(bench.Feed("12\x85").isEmpty());
  EXPECT_EQ(bench.Feed("\r"), QStringList{"ms13312"});
  // Two replies in one read come out as two messages, not as one text and an empty one.
  EXPECT_EQ(bench.Feed(Reply("1", 0x85) + Reply("2", 0x98)), (QStringList{"ms1331", "ms1522"}));
}

TEST_F(ReplyPath, UnknownCodesAndGarbageDoNotCorruptTheNextReply) {
  TReplyBench bench;
  // An unknown code ends its reply: its text is dropped.
  EXPECT_TRUE(bench.Feed(Reply("999", 0xC3)).isEmpty());
  EXPECT_EQ(bench.Feed(Reply("4", 0x85)), QStringList{"ms1334"});
  // So does a code byte garbled below the codes, into a digit, a letter or a control byte: its
  // text is neither glued to the next reply nor read as a value.
  const int garbled = bench.Rep().DiscardedAnswers();
  for (const char code : {'5', 'A', '\x7f', '\x01'})
    EXPECT_EQ(bench.Feed(QByteArray("12") + code + '\r' + Reply("4", 0x85)), QStringList{"ms1334"}) << int(code);
  EXPECT_EQ(bench.Rep().DiscardedAnswers(), garbled + 4);
  // Bytes outside the reply alphabet between replies vanish.
  EXPECT_EQ(bench.Feed(QByteArray("\x00\x01\xfe\r\n ", 6) + Reply("6", 0x85)), QStringList{"ms1336"});
  // A code byte with no CR is no terminator: nothing comes out and nothing crashes.
  EXPECT_TRUE(bench.Feed("7\x85" "8").isEmpty());
}

TEST_F(ReplyPath, NoiseBurstStaysBoundedAndTheLineRecovers) {
  TReplyBench bench;
  bench.Rep().SetCollectorSize(TIFDInputMode::SE);
  std::mt19937 random(7);
  QByteArray noise(1 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(random() % 256);
  bench.Port.ReceiveBytes(noise);
  EXPECT_LE(bench.Replies.PendingText().size(), TReplyCollector::MaxPendingBytes);
  EXPECT_LE(TAvailablePorts::PendingIn(), TAvailablePorts::MaxQueuedMessages);
  // Printable noise without a terminator piles up only to the bound.
  bench.Port.ReceiveBytes(QByteArray(1 << 20, 'A'));
  EXPECT_EQ(bench.Replies.PendingText().size(), TReplyCollector::MaxPendingBytes);
  TFakePortBench::Drain();
  // The next terminator flushes what the noise left; the reply after it is clean.
  EXPECT_EQ(bench.Feed(Reply("", 0x99) + Reply("42", 0x85)).last(), "ms13342");
}

TEST_F(ReplyPath, RepliesFasterThanTheDispatcherDropTheOldest) {
  TReplyBench bench;
  QByteArray flood;
  for (int i = 0; i < TAvailablePorts::MaxQueuedMessages + 100; ++i) flood += Reply(QByteArray::number(i), 0x85);
  bench.Port.ReceiveBytes(flood);
  EXPECT_EQ(TAvailablePorts::PendingIn(), TAvailablePorts::MaxQueuedMessages);
  const QStringList in = TFakePortBench::Drain().In;
  EXPECT_EQ(in.last(), QStringLiteral("ms133%1").arg(TAvailablePorts::MaxQueuedMessages + 99));
}

TEST(SerialMessage, SplitsMarkerCodeAndData) {
  const TSerialMessage slave = TSerialMessage::SplitCodeAndData("sl134 1 2");
  EXPECT_EQ(slave.Role, TApdComPortRole::sl);
  EXPECT_EQ(slave.Code, 134);
  EXPECT_EQ(slave.Data, " 1 2");
  EXPECT_EQ(TSerialMessage::SplitCodeAndData("xx157abc").Role, TApdComPortRole::na);
  // A code field that is not three digits is -1, also for short or signed texts.
  EXPECT_EQ(TSerialMessage::SplitCodeAndData("msabc12").Code, -1);
  EXPECT_EQ(TSerialMessage::SplitCodeAndData("ms-12x").Code, -1);
  EXPECT_EQ(TSerialMessage::SplitCodeAndData("ms1").Code, -1);
  EXPECT_EQ(TSerialMessage::SplitCodeAndData("").Code, -1);
  EXPECT_EQ(TSerialMessage::CardMarkerToCardRole("ms"), 1);
  EXPECT_EQ(TSerialMessage::CardMarkerToCardRole("sl"), 2);
  EXPECT_EQ(TSerialMessage::CardMarkerToCardRole("BOTH"), 0);
}
