// The settings page.
'use strict';
