#pragma once

#include <QLoggingCategory>

// The application's log channels, named "<subsystem>.<category>".
Q_DECLARE_LOGGING_CATEGORY(lcApiClient)
Q_DECLARE_LOGGING_CATEGORY(lcPinning)
Q_DECLARE_LOGGING_CATEGORY(lcTokenManager)
Q_DECLARE_LOGGING_CATEGORY(lcTokenProvisioner)
