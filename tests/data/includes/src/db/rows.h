#pragma once
#include <QtWidgets/QWidget>
#include <QString>
