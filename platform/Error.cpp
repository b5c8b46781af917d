#include "platform/Error.h"
