// Stands in for the program's static libraries that show the icon.
#pragma once

const char* iconPath32();
const char* iconPath16();
