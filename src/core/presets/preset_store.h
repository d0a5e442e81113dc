// The presets folder: `presets/` in the config folder, one NAME.ini per preset.
// Names are UTF-8 and become file names as they are.
#pragma once

#include <string>
#include <vector>

#include "core/presets/preset.h"

namespace tessarn {

std::string PresetFolder(const std::string& configDir);

// Empty when `name` can name a preset file; else why not (UTF-8).
std::string PresetNameError(const std::string& name);

// The presets' names in natural order.
std::vector<std::string> ListPresets(const std::string& configDir);

bool PresetExists(const std::string& configDir, const std::string& name);

// Each returns false with `error` (UTF-8) and changes nothing when it fails.
bool LoadPresetFile(const std::string& path, Preset& preset, std::string& error);
bool LoadPreset(const std::string& configDir, const std::string& name, Preset& preset,
                std::string& error);
// Replaces a preset of the same name, through a temporary file beside it.
bool SavePreset(const std::string& configDir, const std::string& name, const Preset& preset,
                std::string& error);
bool DeletePreset(const std::string& configDir, const std::string& name, std::string& error);
// Refuses to replace another preset.
bool RenamePreset(const std::string& configDir, const std::string& from, const std::string& to,
                  std::string& error);

}  // namespace tessarn
