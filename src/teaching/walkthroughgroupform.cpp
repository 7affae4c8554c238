#include "teaching/walkthroughgroupform.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "results/resultsprinter.h"
#include "teaching/iteachinghost.h"
#include "teaching/questionlist.h"

TWalkThroughGroupForm::TWalkThroughGroupForm(TWalkThroughGroup group, TQuestionList* questions, ITeachingHost* host,
                                             QWidget* parent)
    : QWidget(parent),
      FGroup(std::move(group)),
      FQuestions(questions),
      FHost(host),
      FPanel(new QScrollArea(this)),
      FPanelBody(new QWidget),
      FPanelLayout(new QVBoxLayout(FPanelBody)),
      FPictureArea(new QScrollArea(this)),
      FPicture(new QLabel),
      FShowAtStartup(new QCheckBox(QStringLiteral("Show at startup"), this)) {
  setWindowTitle(QStringLiteral("Presentation"));
  FMore = MakeLink(QStringLiteral("More"), this);
  FPrevious = MakeLink(QStringLiteral("Previous"), this);
  FNext = MakeLink(QStringLiteral("Next"), this);
  FMore->setToolTip(QStringLiteral("More about this slide"));
  FPrevious->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  FNext->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));

  FPanel->setWidget(FPanelBody);
  FPanel->setWidgetResizable(true);
  FPanel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FPanel->setFrameShape(QFrame::NoFrame);
  FPanelLayout->setContentsMargins(6, 8, 6, 8);
  FPanelLayout->setSpacing(4);
  FPicture->setAlignment(Qt::AlignCenter);
  FPicture->setWordWrap(true);
  FPictureArea->setWidget(FPicture);
  FPictureArea->setWidgetResizable(true);
  FPictureArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FPictureArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FPictureArea->setAlignment(Qt::AlignCenter);

  auto* right = new QVBoxLayout;
  right->addWidget(FPictureArea, 1);
  FBar = new QHBoxLayout;
  FBar->addWidget(FShowAtStartup);
  FBar->addStretch(1);
  FBar->addWidget(FMore);
  FBar->addSpacing(16);
  FBar->addWidget(FPrevious);
  FBar->addSpacing(16);
  FBar->addWidget(FNext);
  right->addLayout(FBar);
  FStartupRow = new QHBoxLayout;
  right->addLayout(FStartupRow);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 6, 4);
  layout->addWidget(FPanel);
  layout->addLayout(right, 1);

  connect(FMore, &QPushButton::clicked, this, &TWalkThroughGroupForm::MoreClick);
  connect(FPrevious, &QPushButton::clicked, this, &TWalkThroughGroupForm::PreviousClick);
  connect(FNext, &QPushButton::clicked, this, &TWalkThroughGroupForm::NextClick);
  connect(FShowAtStartup, &QCheckBox::toggled, this, &TWalkThroughGroupForm::ShowAtStartupChanged);

  // A question the sheet does not hold (or that cannot be answered) would keep the student on its
  // slide for good: the slide is passed as if it had none (the rig check names it).
  for (TWalkThrough& chapter : FGroup.Chapters)
    for (TWalkThroughStep& step : chapter.wtsStep)
      if (!step.wtstQuestionDone && (!FQuestions || !FQuestions->CanAsk(step.wtstQuestionNumber))) step.wtstQuestionDone = true;
  BuildLinks();
  ApplyLook();
  resize(400, 300);
  if (!FGroup.Chapters.empty()) ShowFirst();
}

TWalkThroughGroupForm::~TWalkThroughGroupForm() = default;

QPushButton* TWalkThroughGroupForm::MakeLink(const QString& text, QWidget* parent) {
  auto* link = new QPushButton(text, parent);
  link->setFlat(true);
  link->setCursor(Qt::PointingHandCursor);
  link->setAutoDefault(false);
  link->installEventFilter(this);
  return link;
}

bool TWalkThroughGroupForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    auto* link = qobject_cast<QPushButton*>(watched);
    if (link && (key == Qt::Key_Return || key == Qt::Key_Enter) && link->isEnabled()) {
      link->click();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TWalkThroughGroupForm::SetLinkColor(QPushButton* link, const QColor& color) {
  // A link being pressed takes the link colour.
  link->setStyleSheet(QStringLiteral("QPushButton{color:%1;border:none;text-align:left;padding:2px;}"
                                     "QPushButton:focus{border:1px dotted %1;}QPushButton:pressed{color:%2;}")
                          .arg(color.name(), FGroup.Look.LinkColor().name()));
}

// Every chapter gets a link; the panel scrolls when they do not fit.
void TWalkThroughGroupForm::BuildLinks() {
  int longest = 0;
  for (const TWalkThrough& c : FGroup.Chapters) longest = std::max(longest, static_cast<int>(c.FwtsTitle.size()));
  for (size_t i = 0; i < FGroup.Chapters.size(); ++i) {
    QPushButton* link = MakeLink(FGroup.Chapters[i].FwtsTitle, FPanelBody);
    link->setAccessibleName(QStringLiteral("Chapter %1: %2").arg(i + 1).arg(FGroup.Chapters[i].FwtsTitle));
    connect(link, &QPushButton::clicked, this, [this, i] { LinkClick(static_cast<int>(i)); });
    FPanelLayout->addWidget(link);
    FLinks.push_back(link);
  }
  FPanelLayout->addStretch(1);
  int width = 9 * longest;
  for (QPushButton* link : FLinks) width = std::max(width, link->sizeHint().width());
  FPanel->setFixedWidth(std::clamp(width, 60, 260) + 20 + FPanel->verticalScrollBar()->sizeHint().width() / 2);
}

void TWalkThroughGroupForm::ApplyLook() {
  const TPresentationLook& look = FGroup.Look;
  QFont font = this->font();
  if (!look.FontName.isEmpty()) font.setFamily(look.FontName);
  font.setBold(look.Bold);
  font.setItalic(look.Italic);
  if (look.FontSize > 0) font.setPointSize(look.FontSize);
  for (QWidget* w : std::initializer_list<QWidget*>{FPanelBody, FMore, FPrevious, FNext, FShowAtStartup}) w->setFont(font);
  for (QPushButton* link : FLinks) link->setFont(font);
  QString back;
  if (const auto colour = look.Background()) back = QStringLiteral("background:%1;").arg(colour->name());
  setStyleSheet(QString());
  if (!back.isEmpty()) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, *look.Background());
    setPalette(p);
    FPanelBody->setAutoFillBackground(true);
    FPanelBody->setPalette(p);
    FPanel->viewport()->setPalette(p);
  }
  FShowAtStartup->setStyleSheet(QStringLiteral("QCheckBox{color:%1;}").arg(look.TextColor().name()));
  PaintLinks();
  for (QPushButton* link : {FMore, FPrevious, FNext}) {
    SetLinkColor(link, look.TextColor());
    // The focus frame (1 px) and the padding (2 px) on each side leave the text its whole width.
    link->setMinimumWidth(link->fontMetrics().horizontalAdvance(link->text()) + 8);
  }
}

void TWalkThroughGroupForm::PaintLinks() {
  for (size_t i = 0; i < FLinks.size(); ++i)
    SetLinkColor(FLinks[i], static_cast<int>(i) == FChapterNo ? FGroup.Look.LinkColor() : FGroup.Look.TextColor());
}

void TWalkThroughGroupForm::ShowFirst() {
  if (FGroup.Chapters.empty()) return;
  FChapterNo = 0;
  PaintLinks();
  ShowSlide();
  emit BringToFront();
}

void TWalkThroughGroupForm::FormActivate() {
  if (!FGroup.Chapters.empty()) ShowSlide();
}

QString TWalkThroughGroupForm::SlideText() const {
  const TWalkThrough& chapter = FGroup.Chapters[static_cast<size_t>(FChapterNo)];
  return QStringLiteral("%1 : Slide %2 of %3").arg(chapter.FwtsTitle).arg(chapter.wtpStepInUse + 1).arg(chapter.wtsStep.size());
}

// A picture that cannot be shown is named, so the author knows which file to mend.
void TWalkThroughGroupForm::ShowSlide() {
  TWalkThrough& chapter = CurrentChapter();
  const TWalkThroughStep& step = chapter.Current();
  QImageReader reader(step.wtstTextFile);
  const QImage image = step.wtstTextFile.isEmpty() ? QImage() : reader.read();
  FSlidePicture = QPixmap::fromImage(image);
  if (!image.isNull()) {
    FitPicture();
    FPicture->setAccessibleName(SlideText());
  } else {
    FPicture->setPixmap(QPixmap());
    const QString why = step.wtstPictureName.isEmpty()
                            ? QStringLiteral("This slide names no picture.")
                            : !QFileInfo::exists(step.wtstTextFile)
                                  ? QStringLiteral("The picture \"walk/%1\" is missing.").arg(step.wtstPictureName)
                                  : QStringLiteral("The picture \"walk/%1\" cannot be shown: %2")
                                        .arg(step.wtstPictureName, reader.errorString());
    FPicture->setText(QStringLiteral("<p style='color:#800000'><b>%1</b></p><p>%2</p>")
                          .arg(SlideText().toHtmlEscaped(), why.toHtmlEscaped()));
  }
  SetNavigation();
  if (FHost) FHost->PresentationShown(chapter.FwtsTitle, chapter.wtpStepInUse + 1, static_cast<int>(chapter.wtsStep.size()));
}

// "Next" also stays on a chapter's last slide while its question waits, so that question can be
// answered.
void TWalkThroughGroupForm::SetNavigation() {
  if (FGroup.Chapters.empty()) {
    FNext->setVisible(false);
    FPrevious->setVisible(false);
    FMore->setVisible(false);
    return;
  }
  TWalkThrough& chapter = CurrentChapter();
  FNext->setVisible(chapter.HasNext() || !chapter.Current().wtstQuestionDone);
  FPrevious->setVisible(chapter.HasPrevious());
  FMore->setVisible(chapter.Current().HasMore());
}

void TWalkThroughGroupForm::FitPicture() {
  if (FSlidePicture.isNull()) return;
  const QSize room = FPictureArea->viewport()->size() - QSize(4, 4);
  if (FSlidePicture.width() <= room.width() && FSlidePicture.height() <= room.height())
    FPicture->setPixmap(FSlidePicture);
  else
    FPicture->setPixmap(FSlidePicture.scaled(room.expandedTo(QSize(40, 30)), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TWalkThroughGroupForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceShowAtStartup();
  FitPicture();
}

void TWalkThroughGroupForm::PlaceShowAtStartup() {
  const QLayout* outer = layout();
  const QMargins m = outer->contentsMargins();
  const int room = width() - m.left() - m.right() - FPanel->width() - outer->spacing();
  int links = 0;
  for (const QPushButton* link : {FMore, FPrevious, FNext}) links += link->sizeHint().width() + 16;
  const bool ownRow = room < FShowAtStartup->sizeHint().width() + FBar->spacing() + links;
  if (ownRow == (FStartupRow->indexOf(FShowAtStartup) >= 0)) return;
  if (ownRow) {
    FBar->removeWidget(FShowAtStartup);
    FStartupRow->addWidget(FShowAtStartup);
  } else {
    FStartupRow->removeWidget(FShowAtStartup);
    FBar->insertWidget(0, FShowAtStartup);
  }
}

void TWalkThroughGroupForm::LinkClick(int chapter) {
  if (chapter < 0 || chapter >= static_cast<int>(FGroup.Chapters.size())) return;
  FChapterNo = chapter;
  TWalkThrough& c = CurrentChapter();
  if (!c.HasNext()) c.wtpStepInUse = 0;
  PaintLinks();
  ShowSlide();
  emit BringToFront();
}

void TWalkThroughGroupForm::NextClick() {
  if (FGroup.Chapters.empty()) return;
  TWalkThrough& chapter = CurrentChapter();
  TWalkThroughStep& step = chapter.Current();
  if (!step.wtstQuestionDone) {
    if (!FQuestions->AskQuestion(step.wtstQuestionNumber)) {
      SetNavigation();
      return;
    }
    // The same question on another slide is not asked again.
    for (TWalkThrough& c : FGroup.Chapters)
      for (TWalkThroughStep& s : c.wtsStep)
        if (s.wtstQuestionNumber == step.wtstQuestionNumber) s.wtstQuestionDone = true;
  }
  if (chapter.HasNext()) ++chapter.wtpStepInUse;
  ShowSlide();
}

void TWalkThroughGroupForm::PreviousClick() {
  if (FGroup.Chapters.empty()) return;
  TWalkThrough& chapter = CurrentChapter();
  if (chapter.HasPrevious()) --chapter.wtpStepInUse;
  ShowSlide();
}

void TWalkThroughGroupForm::MoreClick() {
  if (FGroup.Chapters.empty()) return;
  const TWalkThroughStep& step = CurrentChapter().Current();
  if (step.HasMore() && FHost) FHost->ShowMore(step.wtstHelpFile, step.wtstTopic);
}

bool TWalkThroughGroupForm::AnyQuestionWaiting() const {
  for (const TWalkThrough& chapter : FGroup.Chapters)
    if (chapter.PendingSlide() >= 0) return true;
  return false;
}

bool TWalkThroughGroupForm::Unhide() {
  for (size_t i = 0; i < FGroup.Chapters.size(); ++i) {
    const int pending = FGroup.Chapters[i].PendingSlide();
    if (pending < 0) continue;
    FChapterNo = static_cast<int>(i);
    CurrentChapter().wtpStepInUse = pending;
    PaintLinks();
    ShowSlide();
    emit BringToFront();
    NextClick();
    return true;
  }
  return false;
}

void TWalkThroughGroupForm::Copy() { QApplication::clipboard()->setPixmap(grab()); }

TResultsPrinter& TWalkThroughGroupForm::Printing() {
  if (!FPrinting) FPrinting = std::make_unique<TResultsPrinter>(this);
  return *FPrinting;
}

void TWalkThroughGroupForm::Print() {
  if (Printing().ChoosePrinter()) Printing().PrintPicture(grab());
}

void TWalkThroughGroupForm::SetShowAtStartup(bool on) {
  const QSignalBlocker quiet(FShowAtStartup);
  FShowAtStartup->setChecked(on);
}

bool TWalkThroughGroupForm::ShowAtStartup() const { return FShowAtStartup->isChecked(); }
