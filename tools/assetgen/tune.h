// tune.h - tunes written as text and rendered to a seamless loop.
//
// A tune file (tunes/*.txt) holds one statement per line (lines starting with
// '#' are comments):
//
//   tempo 140                                 beats per minute; a step is 1/4 beat
//   voice lead pulse duty 0.25 vol 0.2 env 0.005 0.1 0.6 0.05 vibrato 0.2
//   voice beat drums vol 0.3                  waves: pulse, triangle, drums
//   pattern riff A4:4 C5+E5:2 r:2 Bb4:8       notes (with # or b), chords with +, rests r
//   pattern groove k:2 h:2 s+h:2 h:2          drums: k kick, s snare, h hat, o open hat
//   play lead riff riff*3                     appends patterns to a voice, *N repeats
//
// Every voice must come to the same number of steps: that is the loop. The
// render wraps each note's tail round to the start, so the end of the buffer
// runs on into its beginning without a seam.
#pragma once

#include <map>
#include <string>
#include <vector>

struct TuneEvent {
    int step, steps;        // start and length in steps
    std::vector<int> notes; // MIDI notes, or minus the drum letter for the drum wave
};

struct TuneVoice {
    std::string wave = "pulse";
    double duty = 0.5, volume = 0.2, vibrato = 0;
    double attack = 0.005, decay = 0.1, sustain = 0.7, release = 0.05;
    std::vector<TuneEvent> events;
    int length = 0; // steps so far
};

struct Tune {
    double tempo = 120;
    std::map<std::string, TuneVoice> voices;
    int steps = 0;
};

// Throws std::runtime_error naming origin and line on any mistake, including
// voices of different lengths.
Tune parseTune(const std::string& text, const std::string& origin);
// Mono samples at the rate, peak-normalised, exactly steps x step length long.
std::vector<float> renderTune(const Tune& tune, int rate);
