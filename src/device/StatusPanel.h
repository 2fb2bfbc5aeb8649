#pragma once

// The status bar's panels: the lamp, the connection text, the latest message
// and the progress mark.
enum class StatusPanel : int { Lamp = 0, Connection = 1, Message = 2, Progress = 3 };
