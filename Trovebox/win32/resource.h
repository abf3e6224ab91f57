#pragma once
#include "../logic/resource.h"
