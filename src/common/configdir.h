// Where the program finds its installation and where it keeps the settings files
// it writes: beside the installation when that is writable (a build's program
// directory, a copy in the user's home), else in the user's configuration
// directory (an installation under /usr), read there first.
#pragma once
#include <optional>
#include <string>

namespace pal {

// The installation directory of an executable living in exeDir: exeDir itself
// when it holds the settings file PALUMARO.DFT (a program directory), else
// exeDir/../share/palumaro when that exists (an installed prefix), else exeDir.
std::string installationDir(const std::string& exeDir);

// The user's configuration directory of the program: $XDG_CONFIG_HOME/palumaro,
// else $HOME/.config/palumaro (not created here).
std::string userConfigDir();

// Whether the current user may create files in dir.
bool directoryWritable(const std::string& dir);

// The directory the settings files are written to: installDir when writable,
// else userDir (created when missing).
std::string settingsWriteDir(const std::string& installDir, const std::string& userDir);
std::string settingsWriteDir(const std::string& installDir);  // userDir = userConfigDir()

// A settings file to read: the one in the write directory when that is the
// user's directory and holds it, else the installation's (any letter case).
std::optional<std::string> findSettingsFile(const std::string& installDir, const std::string& userDir,
                                            const std::string& name);
std::optional<std::string> findSettingsFile(const std::string& installDir, const std::string& name);

// The path a settings file is written to: the existing file of that name in the
// write directory (any letter case), else the exact name there.
std::string settingsWritePath(const std::string& installDir, const std::string& name);

// Before a file is rewritten from its previous text in the user's directory,
// the installation's copy is taken there when the user has none yet.
void seedSettingsFile(const std::string& installDir, const std::string& writeDir, const std::string& name);

// Where an installation under a prefix keeps its programs: the installation
// <prefix>/share/palumaro has them in <prefix>/lib/palumaro (architecture-
// dependent files stay out of share). Empty for any other directory.
std::string installedProgramDir(const std::string& installDir);

}  // namespace pal
