// The modal about box: the product, its version and its home page.
#pragma once

#include <QDialog>
#include <QUrl>

namespace velmora::gui {

inline constexpr const char* kHomePage = "https://velmora.brimvale.org/";

QUrl HomePageUrl();

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace velmora::gui
