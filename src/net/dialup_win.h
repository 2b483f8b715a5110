// Dial-up connection management: dial before a fetch when asked to, hang up after the cycle.
#pragma once

void DialIfNeeded();
void HangUpIfDialled();
