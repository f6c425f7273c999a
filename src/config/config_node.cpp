#include "config/config_node.h"
