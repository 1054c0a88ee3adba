#pragma once

// Registry scripts (resource type "REGISTRY").
#define IDR_APPID 3000
#define IDR_DOCUMENTUMREGISTRYHELPER 3001
