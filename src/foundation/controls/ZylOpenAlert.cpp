#include "foundation/controls/ZylOpenAlert.h"

#include "foundation/controls/ControlMath.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/Log.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

ZylOpenAlert::ZylOpenAlert(QWidget* callerWindow)
    : QObject(callerWindow ? callerWindow->window() : nullptr),
      m_caller(callerWindow ? callerWindow->window() : nullptr) {}

ZylOpenAlert::~ZylOpenAlert() {
    // Closing the caller before OK takes the message with it.
    if (m_window)
        m_window->deleteLater();
}

QDialog* ZylOpenAlert::window() {
    if (!m_window)
        windowDidLoad();
    return m_window;
}

QLabel* ZylOpenAlert::appIconView() {
    return window() ? m_appIconView : nullptr;
}
QLabel* ZylOpenAlert::titleLabel() {
    return window() ? m_titleLabel : nullptr;
}
QCheckBox* ZylOpenAlert::openBtn() {
    return window() ? m_openBtn : nullptr;
}
QPushButton* ZylOpenAlert::okBtn() {
    return window() ? m_okBtn : nullptr;
}

void ZylOpenAlert::windowDidLoad() {
    auto* dialog = new QDialog(m_caller);
    dialog->setObjectName(QStringLiteral("ZylOpenAlert"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFixedSize(int(kWidth), int(kHeight));
    m_window = dialog;

    auto text = [](const QString& key, const char* fallback) {
        return NSBundle::localizedStringForKey(key.isEmpty() ? QString::fromLatin1(fallback) : key);
    };
    dialog->setWindowTitle(text(m_windowTitle, "Title"));

    m_appIconView = new QLabel(dialog);
    m_appIconView->setFixedSize(48, 48);
    m_appIconView->setAlignment(Qt::AlignCenter);
    if (QImage icon = NSBundle::imageWithfileName(QStringLiteral("im/app_Icon.png")); !icon.isNull())
        m_appIconView->setPixmap(
            QPixmap::fromImage(icon.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_titleLabel = new QLabel(text(m_infomation, "InformationLabelTitle"), dialog);
    m_titleLabel->setWordWrap(true);
    m_openBtn = new QCheckBox(NSBundle::localizedStringForKey(QStringLiteral("OpenfileTitle")), dialog);
    m_okBtn = new QPushButton(NSBundle::localizedStringForKey(QStringLiteral("OKBtnTitle")), dialog);
    m_okBtn->setDefault(true);

    auto* grid = new QGridLayout(dialog);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->addWidget(m_appIconView, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(m_titleLabel, 0, 1, 1, 2);
    grid->addWidget(m_openBtn, 1, 1, Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(m_okBtn, 1, 2, Qt::AlignRight | Qt::AlignBottom);
    grid->setColumnStretch(1, 1);

    connect(m_okBtn, &QPushButton::clicked, this, &ZylOpenAlert::okAction);
    // However the message ends (OK, or closed from the keyboard), it goes away by itself.
    connect(dialog, &QDialog::finished, this, &QObject::deleteLater);
}

NSRect ZylOpenAlert::frameOverWindow(const NSRect& callerFrame, const NSRect& mainScreenFrame) {
    double px = callerFrame.x + mainScreenFrame.x;
    const double py = callerFrame.y + mainScreenFrame.y;
    if (px < 0)
        px += mainScreenFrame.width;
    return {px + (callerFrame.width - kWidth) / 2, py + (callerFrame.height - kHeight) / 2, kWidth, kHeight};
}

void ZylOpenAlert::placeOverCaller() {
    QDialog* dialog = window();
    if (!m_caller) {
        dialog->resize(int(kWidth), int(kHeight));
        return;
    }
    // Centring is the same measured from the top as from the bottom, so the caller's Qt
    // frame serves directly.
    const QRect caller = m_caller->frameGeometry();
    NSRect screen;
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->geometry();
        screen = {double(g.x()), double(g.y()), double(g.width()), double(g.height())};
    }
    const NSRect r = frameOverWindow(
        {double(caller.x()), double(caller.y()), double(caller.width()), double(caller.height())}, screen);
    dialog->setGeometry(controls::toPixels(r.x), controls::toPixels(r.y), int(kWidth), int(kHeight));
}

void ZylOpenAlert::open() {
    QDialog* dialog = window();
    dialog->setWindowModality(m_caller ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->show();
    dialog->raise();
}

void ZylOpenAlert::okAction() {
    const bool openFolder = m_openBtn && m_openBtn->isChecked();
    QPointer<QDialog> window = m_window;
    // The callback runs before the window closes; a copy, as it may replace itself or
    // close the caller (and this message with it).
    if (OkBlock block = m_selectedOkBlock)
        block(openFolder);
    else
        qCDebug(lcControls) << "finish message closed without a callback";
    if (window)
        window->done(QDialog::Accepted);
}
