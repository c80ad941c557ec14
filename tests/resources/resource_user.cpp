#include "resource_user.h"

const char* iconPath32() { return ":/icons/malvor.png"; }
const char* iconPath16() { return ":/icons/malvor16.png"; }
