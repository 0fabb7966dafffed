# Files of this subsystem: target_sources(palumaro_core ...) and target_sources(palumaro_ui ...).
