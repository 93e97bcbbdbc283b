// The about box lays out a picture, a few lines of text with a link, and an OK button.
#include "about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "images.h"

namespace velmora::gui {

QUrl HomePageUrl() {
    return QUrl(QString::fromLatin1(kHomePage));
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Velmora"));

    auto* picture = new QLabel(this);
    picture->setPixmap(ProgramIcon().pixmap(QSize(64, 64), devicePixelRatioF()));
    picture->setAlignment(Qt::AlignTop);

    auto* text = new QLabel(this);
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    text->setText(QStringLiteral("<h3>Velmora %1</h3>"
                                 "<p>Analyser and light editor for MPEG-2 video elementary streams.</p>"
                                 "<p>Copyright &copy; Brimvale</p>"
                                 "<p><a href=\"%2\">%2</a></p>")
                      .arg(QStringLiteral(VELMORA_VERSION), QString::fromLatin1(kHomePage)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

}  // namespace velmora::gui
