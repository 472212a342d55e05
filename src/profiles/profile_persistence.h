#pragma once
// Custom profiles in the configuration tree, and the short texts that describe audio formats.
// Each custom profile is stored as "Profile1", "Profile2", ... under the section the cursor is
// on, holding its base format id, its description and only the values that are not automatic;
// everything else comes from the base format again when it is read.
#include <cstdint>
#include <string>

#include "config/kest_config.h"
#include "profiles/output_profile_list.h"

// Replaces the children of the cursor's node by the list's custom profiles, in list order.
// A failure ends the saving quietly, with the cursor back on the section.
void Profiles_Save(const profile_list& list, config_list& config);
// Adds the profiles stored under the cursor's node, from "Profile1" up to the first missing
// number; entries without a valid built-in "FormatId" and duplicates are skipped.
void Profiles_Load(profile_list& list, config_list& config);

// "-", "mono", "stereo", "2.1 stereo", "5.1 surround", "6.1 surround", "7.1 surround", or
// the count followed by "-channels".
std::string Ffmpeg_ChannelsText(std::int32_t channels);
// For example "44100 Hz, stereo".
std::string Ffmpeg_AudioFormatText(std::int32_t sample_rate, std::int32_t channels);
