// joystick.h - the joystick side of input.h that the keyboard side needs.
#pragma once

void joystickFlush(); // samples the pads, then forgets their Start and Back presses
void joystickReset(); // closes every port and zeroes the joystick tables
