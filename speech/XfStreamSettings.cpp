#include "speech/XfStreamSettings.h"

#include "service/Endpoints.h"

XfStreamSettings XfStreamSettings::FromEndpoints(const Endpoints& endpoints) {
    XfStreamSettings settings;
    settings.address = endpoints.xfIat;
    settings.appId = endpoints.xfAppId;
    settings.apiKey = endpoints.xfApiKey;
    settings.apiSecret = endpoints.xfApiSecret;
    settings.caFile = endpoints.caFile;
    return settings;
}

bool XfStreamSettings::Usable() const {
    return !address.empty() && !appId.empty() && !apiKey.empty() && !apiSecret.empty();
}
