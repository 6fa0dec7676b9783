#pragma once

#include "ui/View.h"
