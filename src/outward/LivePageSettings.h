#pragma once
#include <QString>

class IniFile;

// The live page's settings, in their own section of the settings file. Off, on this computer
// only, at port 8080 unless told otherwise; a value that does not read gives its default.
struct LivePageSettings {
    static inline const QString kSection = "LivePage";
    static constexpr int kDefaultPort = 8080;

    bool enabled = false;
    int port = kDefaultPort;
    bool network = false;  // the studio network (every address) rather than this computer only
    QString code;          // the access code asked for on the network

    static LivePageSettings load(const IniFile& ini);
    void save(IniFile& ini) const;

    // Open to the network without a code: not to be started.
    bool openWithoutCode() const { return enabled && network && code.isEmpty(); }
    friend bool operator==(const LivePageSettings&, const LivePageSettings&) = default;
};
