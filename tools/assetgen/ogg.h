// ogg.h - mono Ogg Vorbis writer over libvorbisenc.
//
//   writeOggVorbis(samples, 22050, 0.4f, "out/sfx/jump.ogg");
//
// Samples are floats in -1..1. The Ogg stream serial number is fixed, so the
// same samples always give the same bytes.
#pragma once

#include <string>
#include <vector>

// Throws std::runtime_error when the encoder refuses the settings or the file
// cannot be written.
void writeOggVorbis(const std::vector<float>& samples, int rate, float quality,
                    const std::string& path);
