#pragma once

// All editor factories.
#include "propertybrowser/qtcheckboxfactory.h"
#include "propertybrowser/qtdoublespinboxfactory.h"
#include "propertybrowser/qtenumeditorfactory.h"
#include "propertybrowser/qtlineeditfactory.h"
#include "propertybrowser/qtspinboxfactory.h"
