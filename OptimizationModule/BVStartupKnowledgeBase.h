// The knowledge-base handle of a scanner of start-up items. On the linux layout the system's
// start-up folders (/etc/xdg/autostart, /etc/systemd/...) lie inside /etc, which the system-file
// rules keep from every scanner as a whole; start-up items there are exactly what these scanners
// list, so their handle leaves the system-file check out and keeps every other (the user's
// ignore list, the black and gray rules). On the macos layout the handle is the scanner's own.
#pragma once

#include "Foundation/BVEnvironment.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"

std::shared_ptr<BVKnowledgeBaseWrapper> BVStartupKnowledgeBase(const BVEnvironment& environment, BVScannerIdentifier scanner);
