#include "common/LogCategories.h"

Q_LOGGING_CATEGORY(lcApiClient, "mn.orvela.eid.desktop.APIClient")
Q_LOGGING_CATEGORY(lcPinning, "mn.orvela.eid.desktop.Pinning")
Q_LOGGING_CATEGORY(lcTokenManager, "mn.orvela.eid.desktop.TokenManager")
Q_LOGGING_CATEGORY(lcTokenProvisioner, "mn.orvela.eid.desktop.TokenProvisioner")
