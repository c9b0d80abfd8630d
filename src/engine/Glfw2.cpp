#include "Glfw2.h"
