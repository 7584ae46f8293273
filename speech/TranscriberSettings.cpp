#include "speech/TranscriberSettings.h"

#include "service/Endpoints.h"

TranscriberSettings TranscriberSettings::FromEndpoints(const Endpoints& endpoints) {
    TranscriberSettings settings;
    settings.stream = XfStreamSettings::FromEndpoints(endpoints);
    settings.sdkLoginParams = "appid = " + endpoints.xfAppId + ", work_dir = .";
    return settings;
}
