#include "gui/views/contour_commands.h"

#include <QAction>
#include <QMenu>

#include "drawing/markup_painter.h"
#include "engine/core/numbers.h"
#include "engine/display/contour_map.h"
#include "gui/shell/main_window.h"
#include "gui/views/section_option_dlg.h"

namespace tarvo::gui {

ContourCommands::ContourCommands(TMain& main, DisplayState& display, TSectionOptionDlg* dialog)
    : QObject(&main), main_(main), display_(display) {
  const std::pair<const char*, int> colorCommands[] = {{"Reset1", 1}, {"Increase1", 2}, {"Decrease1", 3}, {"Pale1", 4}};
  for (const auto& [name, tag] : colorCommands) {
    main.ProvideCommand(QString::fromLatin1(name), [this, t = tag] { Reset1Click(t); });
  }
  const std::pair<const char*, int> rangeCommands[] = {{"Max1", 21}, {"Min1", 22}, {"Default1", 23}};
  for (const auto& [name, tag] : rangeCommands) {
    main.ProvideCommand(QString::fromLatin1(name), [this, t = tag] { Max1Click(t); });
  }
  if (auto* menu = main.findChild<QMenu*>(QStringLiteral("ContoursMenu"))) {
    connect(menu, &QMenu::aboutToShow, this, &ContourCommands::UpdateMenu);
    if (dialog != nullptr) {
      menu->addSeparator();
      QAction* options = menu->addAction(tr("Section options ..."));
      options->setObjectName(QStringLiteral("SectionOptions1"));
      options->setStatusTip(tr("Options of the pseudosection maps: axes, titles, colours, colour range"));
      connect(options, &QAction::triggered, dialog, [dialog] { dialog->exec(); });
      connect(dialog, &TSectionOptionDlg::ColorsChanged, this, &ContourCommands::ColorsChanged);
    }
  }
  connect(&main, &TMain::DatasetRead, this, [this] {
    if (main_.LastOpenResult().loaded) display_.Multipliers.Reset();
  });
  UpdateMenu();
}

void ContourCommands::UpdateMenu() {
  const int c = display_.Colors.Count;
  if (QAction* increase = main_.Command(QStringLiteral("Increase1"))) {
    increase->setText(tr("Increase (%1 colors)").arg(2 * c - 1));
    increase->setEnabled(c < MaxIncreasableColors + 1);
  }
  if (QAction* decrease = main_.Command(QStringLiteral("Decrease1"))) {
    const int fewer = (c - 1) / 2 + 1;
    decrease->setText(tr("Decrease (%1 colors)").arg(fewer));
    decrease->setEnabled(fewer >= DefaultColorCount);
  }
  // The range commands concern the configuration window's colour map.
  const QAction* map = main_.Command(QStringLiteral("aIso"));
  const bool shown = main_.Dataset().DataKind >= 3 && map != nullptr && map->isChecked();
  const QString units = main_.Shell().IPMode ? QStringLiteral(" %") : QStringLiteral(" Ohm.m");
  QAction* max = main_.Command(QStringLiteral("Max1"));
  QAction* min = main_.Command(QStringLiteral("Min1"));
  if (max != nullptr && min != nullptr) {
    if (levels_ != nullptr && levels_->Count > 0) {
      min->setText(tr("Decrease min (%1%2)").arg(drawing::Latin1(MapLabel(levels_->Bound(1))), units));
      max->setText(tr("Increase max (%1%2)").arg(drawing::Latin1(MapLabel(levels_->Bound(levels_->Count))), units));
    } else {
      min->setText(tr("Min"));
      max->setText(tr("Max"));
    }
    min->setVisible(shown);
    max->setVisible(shown);
  }
  if (QAction* restore = main_.Command(QStringLiteral("Default1"))) {
    restore->setVisible(shown && display_.Multipliers.Widened());
  }
}

void ContourCommands::Reset1Click(int tag) {
  ColorTable& t = display_.Colors;
  switch (tag) {
    case 1: SetDefaultColors(t); break;
    case 2: IncreaseColors(t); break;
    case 3: DecreaseColors(t); break;
    case 4: PaleColors(t); break;
    default: return;
  }
  UpdateMenu();
  emit ColorsChanged();
}

void ContourCommands::Max1Click(int tag) {
  RangeMultipliers& m = display_.Multipliers;
  switch (tag) {
    case 21: m.WidenMax(); break;
    case 22: m.WidenMin(); break;
    case 23: m.Reset(); break;
    default: return;
  }
  UpdateMenu();
  emit RangeChanged();
}

ContourCommands* AttachContourCommands(TMain& main, DisplayState& display, TSectionOptionDlg* dialog) {
  return new ContourCommands(main, display, dialog);
}

}  // namespace tarvo::gui
