// Standard descriptors 0, 1 and 2, made sure to be open before the program opens anything.
//
// A program started with a standard descriptor closed (`bvdemo >&-`) would otherwise hand
// that number to the next file it opens: the X connection would take descriptor 1, and the
// box report would be written into the X protocol stream, leaving the program blocked for
// good in its first buffer swap.
#pragma once

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is not open (read and write),
// leaving open ones alone. Returns false when one could not be opened.
bool ensureStandardDescriptorsOpen();
