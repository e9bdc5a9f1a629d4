#pragma once

// Settings and autostart entries of one test's own, so that other tests of the process never see
// them and it never sees theirs.

#include "support/TempDir.h"

#include <QByteArray>
#include <QtGlobal>

namespace quorvane::test {

struct PrivateConfig {
    TempDir folder;
    QByteArray before = qgetenv("XDG_CONFIG_HOME");
    PrivateConfig() { qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder.path().string())); }
    ~PrivateConfig() { qputenv("XDG_CONFIG_HOME", before); }
    PrivateConfig(const PrivateConfig&) = delete;
    PrivateConfig& operator=(const PrivateConfig&) = delete;
};

} // namespace quorvane::test
