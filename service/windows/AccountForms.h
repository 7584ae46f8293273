#pragma once

#include <QString>

class CConfig;

// What the account forms check before anything is sent, and the saved credentials. Each check
// returns the message to show, or an empty text when the form may be sent.
namespace accountforms {

QString CheckPhone(const QString& phone);
// repeat is the second password field where the form has one (nullptr otherwise).
QString CheckRegistration(const QString& phone, const QString& code, const QString& password,
                          const QString* repeat);
QString CheckCodeSignIn(const QString& phone, const QString& code);
QString CheckPasswordSignIn(const QString& phone, const QString& password);
QString CheckFeedback(const QString& content, const QString& phone);

// Before a password sign-in: with remember "on" keeps the phone and the password in
// custom.ini, with "off" empties both, with anything else leaves them. A file that holds a
// password is readable by its owner only (0600), before and after the password is written.
void SaveCredentials(CConfig& config, const QString& phone, const QString& password);

// Makes custom.ini readable and writable by its owner only; false when that failed.
bool RestrictSettingsFile(const CConfig& config);

} // namespace accountforms
