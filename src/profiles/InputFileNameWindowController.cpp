#include "profiles/InputFileNameWindowController.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/Alerts.h"
#include "platform/Geometry.h"
#include "platform/Log.h"
#include "profiles/AddPfFileNotification.h"
#include "profiles/ProfileSet.h"
#include "profiles/ProfileWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

InputFileNameWindowController::InputFileNameWindowController(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("InputFileNameWindowController"));
    setWindowModality(Qt::WindowModal);
}

InputFileNameWindowController::~InputFileNameWindowController() {
    qCDebug(lcProfiles) << "~InputFileNameWindowController";
}

QDialog* InputFileNameWindowController::window() {
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
    return this;
}

void InputFileNameWindowController::windowDidLoad() {
    resize(380, 141);
    setWindowTitle(NSBundle::localizedStringForKey(QStringLiteral("Title")));
    const double h = 141;
    tisiLabel_ = new QLabel(NSBundle::localizedStringForKey(QStringLiteral("inputTishiTitle")), this);
    geometry::setLeadingGeometry(tisiLabel_, geometry::toQt(NSMakeRect(20, 100, 340, 20), h).toRect());
    nameNameField_ = new QLineEdit(this);
    geometry::setLeadingGeometry(nameNameField_, geometry::toQt(NSMakeRect(20, 64, 340, 24), h).toRect());
    cancelBtn_ = new QPushButton(NSBundle::localizedStringForKey(QStringLiteral("alertCancelBtn")), this);
    geometry::setLeadingGeometry(cancelBtn_, geometry::toQt(NSMakeRect(170, 16, 90, 28), h).toRect());
    okBtn_ = new QPushButton(NSBundle::localizedStringForKey(QStringLiteral("OKBtnTitle")), this);
    geometry::setLeadingGeometry(okBtn_, geometry::toQt(NSMakeRect(270, 16, 90, 28), h).toRect());
    okBtn_->setDefault(true);
    connect(okBtn_, &QPushButton::clicked, this, [this] { actionOkBtn(); });
    connect(cancelBtn_, &QPushButton::clicked, this, [this] { actionCancelBtn(); });
}

void InputFileNameWindowController::actionOkBtn() {
    window();
    const QString name = nameNameField_->text();
    if (name.isEmpty())
        return;
    if (!ProfileWriter::isValidProfileName(name)) {
        // The name becomes a file name in the Custom folder: nothing that leaves that folder,
        // hides the file or cannot be typed back.
        message_ =
            new QMessageBox(QMessageBox::Warning, windowTitle(),
                            NSBundle::localizedStringForKey(
                                QStringLiteral("pfNameInvalidString"),
                                QStringLiteral("This name cannot be used for a profile. Do not use \"/\", "
                                               "\"..\" or a leading \".\".")),
                            QMessageBox::Ok, this);
        Alerts::titleOkButton(message_);
        message_->setAttribute(Qt::WA_DeleteOnClose);
        message_->open();
        return;
    }
    const QString existing =
        QDir(ProfileSet::customFolderForWriting()).filePath(name + QStringLiteral(".pf"));
    if (QFileInfo::exists(existing)) {
        message_ = new QMessageBox(
            QMessageBox::Question, windowTitle(),
            NSBundle::localizedStringForKey(QStringLiteral("pfNameExistsString"),
                                            QStringLiteral("A profile with this name exists. Replace it?")),
            QMessageBox::Yes | QMessageBox::No, this);
        message_->setDefaultButton(QMessageBox::No);
        message_->setAttribute(Qt::WA_DeleteOnClose);
        connect(message_, &QMessageBox::finished, this, [this, name](int result) {
            if (result == QMessageBox::Yes)
                announce(name);
        });
        message_->open();
        return;
    }
    announce(name);
}

void InputFileNameWindowController::announce(const QString& name) {
    profiles::postAddPfFileNotification(
        this, {{QStringLiteral("fileName"), name}, {QStringLiteral("value"), customValue_}});
    close();
}

void InputFileNameWindowController::actionCancelBtn() {
    close();
}
