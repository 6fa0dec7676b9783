#pragma once

#include "app/Application.h"
