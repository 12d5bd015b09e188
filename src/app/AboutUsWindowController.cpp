#include "app/AboutUsWindowController.h"

#include "app/LinkOpener.h"
#include "app/ShellLook.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylView.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/Geometry.h"

#include <QLabel>

namespace {

QString text(const char* key) {
    return NSBundle::localizedStringForKey(QString::fromUtf8(key));
}

QLabel* makeLabel(QWidget* parent, const QRect& frame, int pixelSize, bool bold) {
    auto* label = new QLabel(parent);
    geometry::setLeadingGeometry(label, frame);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

ZylButton* makeLink(QWidget* parent, const QRect& frame, const QString& title) {
    auto* link = new ZylButton(parent);
    geometry::setLeadingGeometry(link, frame);
    link->setUnderLine(true);
    link->setContentTitle(title);
    link->setContentColor(QColor(0, 0, 255));
    return link;
}

} // namespace

AboutUsWindowController::AboutUsWindowController(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(kWidth, kHeight);

    contentBackView_ = new ZylView(this);
    contentBackView_->setGeometry(10, 10, kWidth - 20, kHeight - 20);
    aboutTitleLabel_ = makeLabel(contentBackView_, QRect(20, 14, 420, 30), 20, true);
    aboutTitleLabel_->setObjectName(QStringLiteral("aboutTitleLabel"));
    topLine_ = new ZylView(contentBackView_);
    topLine_->setGeometry(30, 50, 400, 2);
    aboutVersionLabel_ = makeLabel(contentBackView_, QRect(20, 60, 420, 22), 13, false);
    aboutVersionLabel_->setObjectName(QStringLiteral("aboutVersionLabel"));
    middleLeftContentLabel_ =
        makeLink(contentBackView_, QRect(30, 96, 190, 24), text("middleLeftContentLabelstring"));
    middleLeftContentLabel_->setObjectName(QStringLiteral("middleLeftContentLabel"));
    middleRightContentLabel_ =
        makeLink(contentBackView_, QRect(240, 96, 190, 24), text("middleRightContentLabelstring"));
    middleRightContentLabel_->setObjectName(QStringLiteral("middleRightContentLabel"));
    bottomLine_ = new ZylView(contentBackView_);
    bottomLine_->setGeometry(30, 134, 400, 2);
    // Two lines where a translation needs them, above the OK button.
    bottomContentLabel_ = makeLabel(contentBackView_, QRect(20, 140, 420, 44), 13, false);
    bottomContentLabel_->setWordWrap(true);
    bottomContentLabel_->setObjectName(QStringLiteral("bottomContentLabel"));
    okBtn_ = new ZylButton(contentBackView_);
    okBtn_->setObjectName(QStringLiteral("okBtn"));
    okBtn_->setGeometry((kWidth - 20 - 80) / 2, 190, 80, 30);
    windowDidLoad();
}

QUrl AboutUsWindowController::homepageURL() {
    return QUrl(text("homepageUrl"));
}

QUrl AboutUsWindowController::mailURL() {
    QString mail = QStringLiteral("mailto:%1?Subject=%2&body=%3")
                       .arg(text("email_address"), QStringLiteral(" "), QStringLiteral(" "));
    mail.replace(QLatin1Char(' '), QStringLiteral("%20"));
    return QUrl(mail);
}

void AboutUsWindowController::windowDidLoad() {
    shelllook::paintBrandBackground(this);
    setWindowTitle(text("Ixy-de-Rz5.title"));

    contentBackView_->setBackGroundColor(shelllook::lightGrey());
    contentBackView_->setBordColor(shelllook::lightGrey());
    contentBackView_->setCornerRadius(4);
    contentBackView_->setBorderWidth(0);
    for (ZylView* line : {topLine_, bottomLine_}) {
        line->setBackGroundColor(shelllook::brandBlue());
        line->setBordColor(shelllook::brandBlue());
        line->setCornerRadius(1);
        line->setBorderWidth(0);
    }

    aboutTitleLabel_->setText(text("Title"));
    aboutVersionLabel_->setText(text("aboutVersionLabelstring"));
    bottomContentLabel_->setText(text("bottomContentLabelstring"));

    // The links leave the box open.
    middleLeftContentLabel_->mouseDownAction = [this](ZylButton*) { linkopener::open(this, homepageURL()); };
    middleRightContentLabel_->mouseDownAction = [this](ZylButton*) { linkopener::open(this, mailURL()); };

    okBtn_->setNormalBackgroundImage(QStringLiteral("About/btnOK_Normal.bmp"));
    okBtn_->setOnBackgroundImage(QStringLiteral("About/btnOK_On.bmp"));
    okBtn_->setDownBackgroundImage(QStringLiteral("About/btnOK_Down.bmp"));
    okBtn_->setDisAbleBackgroundImage(QStringLiteral("About/btnOK_Disable.bmp"));
    okBtn_->setContentColor(Qt::black);
    okBtn_->setContentTitle(text("OKBtnTitle"));
    okBtn_->mouseDownAction = [this](ZylButton*) { close(); };
}
