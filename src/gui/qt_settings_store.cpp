// Values are stored under their own names at the top of the application's store.
#include "qt_settings_store.h"

#include "settings/settings.h"

namespace velmora::gui {

TQtSettingsStore::TQtSettingsStore()
    : settings_(QSettings::UserScope, QString::fromLatin1(kSettingsOrganisation),
                QString::fromLatin1(kSettingsApplication)) {}

bool TQtSettingsStore::Exists() const {
    // The version is written by every save, so its presence marks a store that has been saved.
    return settings_.contains(QString::fromLatin1(kSettingsVersionName));
}

std::optional<int32_t> TQtSettingsStore::ReadInt(const std::string& Name) const {
    const QVariant value = settings_.value(QString::fromStdString(Name));
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!value.isValid() || !ok || number < INT32_MIN || number > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(number);
}

std::optional<std::string> TQtSettingsStore::ReadString(const std::string& Name) const {
    const QVariant value = settings_.value(QString::fromStdString(Name));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

void TQtSettingsStore::WriteInt(const std::string& Name, int32_t Value) {
    settings_.setValue(QString::fromStdString(Name), Value);
    settings_.sync();
}

void TQtSettingsStore::WriteString(const std::string& Name, const std::string& Value) {
    settings_.setValue(QString::fromStdString(Name), QString::fromStdString(Value));
    settings_.sync();
}

}  // namespace velmora::gui
