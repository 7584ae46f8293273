#pragma once

#include <QString>

#include <string>

// Service addresses and vendor credentials. Built-in values are compiled in; an optional,
// read-only endpoints.ini in the program home overrides any of them:
//   [endpoints] service update web semantic translate tts xf_iat sg_token sg_stream sh_discovery
//   [credentials] xf_appid xf_api_key xf_api_secret sg_appid sg_appkey sh_appkey sh_secret
//                 trans_appid trans_salt trans_key semantic_engineid
//   [tls] ca_file
// Neither credentials nor any other text of the file are written to the log or the debug
// channel. Every address carries its scheme: http or https, ws or wss for xf_iat and sg_stream;
// other schemes are refused. Origins (scheme://host[:port]) never end with "/"; the update base
// always does. Overrides are normalised to that shape when read.
struct Endpoints {
    // [endpoints]
    std::string service;   // maker's service base, no trailing slash
    std::string update;    // update server base, ends with "/"
    std::string web;       // maker's web site
    std::string semantic;  // semantic service origin; callers append "/dbzy/saapi.json?..."
    std::string translate; // translation API origin; callers append "/api/trans/vip/translate?..."
    std::string tts;       // speech endpoint origin; callers append "/translate_tts?..."
    std::string xfIat;     // full streaming dictation address, wss://host/v2/iat
    std::string sgToken;   // full token request address, https://host/apis/auth/v1/create_token
    std::string sgStream;  // full streaming address, wss://host/wss/asr/v1/streaming_recognize
    std::string shDiscovery; // full discovery address, https://host/websocket
    // [credentials]
    std::string xfAppId, xfApiKey, xfApiSecret;
    std::string sgAppId, sgAppKey;
    std::string shAppKey, shSecret;
    std::string transAppId, transSalt, transKey;
    std::string semanticEngineId;
    // [tls]
    std::string caFile; // extra trusted CA bundle, beside the system store

    // True when the first vendor's live stream has an address and all three credentials.
    bool HasXfCredentials() const;
};

// The process-wide endpoints: built-in values overridden by <program home>/endpoints.ini, read
// on first use. A malformed file leaves the built-in values; the fault is kept for the log.
const Endpoints& GetEndpoints();

// One line naming what was wrong with endpoints.ini when the process-wide endpoints were read
// (empty when the file was fine or absent). It never contains text from the file, so the
// application logs it once logging is up: `applog::Warning(GetEndpointsProblem())`.
QString GetEndpointsProblem();

// Reads endpoints from a given file over the built-in values (tests). Returns false and fills
// error when the file exists but is malformed; the result then holds the built-in values.
bool LoadEndpoints(const QString& path, Endpoints& out, QString* error);
