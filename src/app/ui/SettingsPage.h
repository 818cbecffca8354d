#pragma once
// A settings page made of rows: the page's groups in order, each a framed form of its settings
// (rows outside any group go in an unframed form). The top of the page is left free for a display
// that belongs above the rows (the equaliser's response curve).

#include <QWidget>

#include "app/SettingsLayout.h"
#include "app/ui/SettingsRowBuilder.h"

class QVBoxLayout;

namespace gm {

class SettingsPage : public QWidget {
  Q_OBJECT
 public:
  SettingsPage(const SettingsPageLayout& layout, Settings& settings, SettingsRowBuilder::PathResolver resolvePath,
               QWidget* parent = nullptr);

  // Empty until something is placed above the rows: `headerLayout()->addWidget(display)`.
  QVBoxLayout* headerLayout() const { return header_; }

 private:
  QVBoxLayout* header_;
};

}  // namespace gm
