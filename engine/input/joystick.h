// joystick.h - the joystick side of input.h that the keyboard side needs.
#pragma once

void joystickReset(); // closes every port and zeroes the joystick tables
