#pragma once

// Core of the property browser: properties, their managers and editor factories.
#include "propertybrowser/qtabstracteditorfactory.h"
#include "propertybrowser/qtabstractpropertymanager.h"
#include "propertybrowser/qtbrowseritem.h"
#include "propertybrowser/qtproperty.h"
