#pragma once
// Text editor settings whose editing style a test chooses.
#include "ui/editors/TextEditProperties.h"

class TStyledTextProperties : public TcxTextEditProperties {
public:
    VZ_CLASS(TStyledTextProperties, TcxTextEditProperties)
    using TcxTextEditProperties::TcxTextEditProperties;
    TcxTextEditingStyle Editing = tesFreeText;
    TcxTextEditingStyle GetEditingStyle() override { return Editing; }
};
