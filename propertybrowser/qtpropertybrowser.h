#pragma once

// Core of the property browser: properties, their managers and editor factories.
#include "qtabstracteditorfactory.h"
#include "qtabstractpropertymanager.h"
#include "qtbrowseritem.h"
#include "qtproperty.h"
