#pragma once

#include <QWidget>

namespace tarvo::gui {

// A small diagram of one electrode array (codes 1..8): the ground surface,
// the current electrodes A and B joined by the current loop, the potential
// electrodes M and N joined by the voltmeter, and remote electrodes drawn
// off towards infinity.
class ArrayPicture : public QWidget {
  Q_OBJECT

public:
  explicit ArrayPicture(int arrayCode, QWidget* parent = nullptr);

  int ArrayCode() const { return code_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  int code_;
};

}  // namespace tarvo::gui
