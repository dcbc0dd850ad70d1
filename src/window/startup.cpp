#include "window/handlers.hpp"
