#include "TFormSearchData.h"

TFormSearchData::TFormSearchData(QWidget* parent) : QDialog(parent) {}
