-- The seven options with the values a new phrase book starts with.
INSERT INTO オプション (Option_Name, Option_Value) VALUES
    ('English', '1'),
    ('Japanese', '1'),
    ('Speed', '180'),
    ('Speak_sw', '1'),
    ('Title_sw', '1'),
    ('Anser_true', 'good'),
    ('Anser_false', 'so bad');
