#pragma once
#define IDI_TEST_RED 201
#define IDI_TEST_BLUE 202
#define IDI_TEST_RED16 203
#define IDC_TEST_BUTTON 1100
