#pragma once
// The class library in one include: object model, lists, string lists, streams, components.
#include "platform/core/ObjectModel.h"
#include "platform/core/Lists.h"
#include "platform/core/Persistent.h"
#include "platform/core/StringLists.h"
#include "platform/core/Streams.h"
#include "platform/core/Components.h"
