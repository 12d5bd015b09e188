// Where the program finds its resources: the folder that holds "Settings.bundle" and the
// language folders (<code>.lproj), beside the executable in the build tree
// (bin/resources) and under share/cutbench when installed.
#pragma once

#include <QString>

namespace bundle {

// The resources folder (absolute). CUTBENCH_RESOURCE_DIR in the environment overrides it.
QString resourcePath();
// resourcePath() + "/Settings.bundle".
QString settingsBundlePath();
// The folder of the running executable.
QString executableDirectory();

// Points resourcePath() at another folder (tests); an empty path restores the normal lookup.
void setResourcePathForTesting(const QString& path);

} // namespace bundle
