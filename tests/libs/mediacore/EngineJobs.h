// Handles of engine jobs that close themselves at the end of a test.
#pragma once

#include <QByteArray>
#include <QString>

#include "mediacore/MediaCore.h"

inline QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

struct Job {
    void* h = apiMediaConvertCreate();
    ~Job() { apiMediaConvertClose(h); }
};

struct Join {
    void* h = apiMediaJoinCreate();
    ~Join() { apiMediaJoinClose(h); }
};
