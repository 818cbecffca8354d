#pragma once
// A deck's title line as the DJ reads it at a glance: deck letter, track title (with the load's
// progress while it decodes), elapsed and remaining time, the pitch as a deviation in percent and the
// tempo at that pitch.

#include <QFrame>

class QLabel;
class QProgressBar;

namespace gm {

class Deck;

class DeckHeader : public QFrame {
  Q_OBJECT
 public:
  explicit DeckHeader(Deck& deck, QWidget* parent = nullptr);

  // The whole title; the label shows it shortened with "…" when it does not fit.
  const QString& titleText() const { return title_; }

 protected:
  // The title label's own resizes (the bar appearing, the numbers growing) shorten the title again.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildLayout();
  void connectDeck();
  void showTitle(const QString& title);
  void fitTitle();
  void showTimes();
  void showTempo();
  void showProgress(int percent);

  Deck& deck_;
  QString title_;
  QLabel* letterLabel_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* elapsedLabel_ = nullptr;
  QLabel* remainingLabel_ = nullptr;
  QLabel* pitchLabel_ = nullptr;
  QLabel* bpmLabel_ = nullptr;
};

}  // namespace gm
