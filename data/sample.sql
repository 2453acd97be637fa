-- A small phrase book of everyday English, so a new user has something to browse, hear and
-- drill at once. English titles are written with ’ in place of the apostrophe, as the program
-- stores them.

INSERT INTO カテゴリ (カテゴリ名) VALUES
    ('あいさつ'), ('買い物'), ('レストラン'), ('旅行'), ('仕事');

INSERT INTO タイトル (タイトル名_英語, タイトル名_日本語, 英文, 和訳, カテゴリ名) VALUES
    ('Good morning', 'おはようございます', 'Good morning. Did you sleep well?', 'おはようございます。よく眠れましたか？', 'あいさつ'),
    ('Nice to meet you', 'はじめまして', 'Nice to meet you. I''m Ken from Osaka.', 'はじめまして。大阪から来たケンです。', 'あいさつ'),
    ('How are you', 'お元気ですか', 'How are you doing these days?', '最近どうしていますか？', 'あいさつ'),
    ('Long time no see', '久しぶり', 'Long time no see. You haven''t changed at all.', '久しぶりだね。全然変わってないね。', 'あいさつ'),
    ('See you tomorrow', 'また明日', 'See you tomorrow at the station.', 'また明日、駅で会いましょう。', 'あいさつ'),
    ('Thank you for everything', 'いろいろとありがとう', 'Thank you for everything you did for me.', 'いろいろとしてくれて、本当にありがとう。', 'あいさつ'),
    ('Sorry I’m late', '遅れてごめんなさい', 'I''m sorry I''m late. The train was delayed.', '遅れてすみません。電車が遅れていました。', 'あいさつ'),
    ('Have a nice weekend', 'よい週末を', 'Have a nice weekend!', 'よい週末を過ごしてね！', 'あいさつ'),
    ('Take care', 'お大事に', 'Take care of yourself and get some rest.', 'お大事に。ゆっくり休んでね。', 'あいさつ'),
    ('Congratulations', 'おめでとう', 'Congratulations on your new job!', '新しい仕事、おめでとう！', 'あいさつ'),

    ('How much is this', 'これはいくら', 'How much is this jacket?', 'このジャケットはいくらですか？', '買い物'),
    ('Just looking', '見ているだけ', 'No thanks, I''m just looking.', 'いいえ、見ているだけです。', '買い物'),
    ('Can I try it on', '試着する', 'Can I try this on?', 'これを試着してもいいですか？', '買い物'),
    ('Another size', '別のサイズ', 'Do you have this in a smaller size?', 'これのもっと小さいサイズはありますか？', '買い物'),
    ('Paying by card', 'カードで払う', 'Can I pay by credit card?', 'クレジットカードで払えますか？', '買い物'),
    ('Gift wrapping', 'プレゼント用の包装', 'Could you wrap it as a gift, please?', 'プレゼント用に包んでいただけますか？', '買い物'),
    ('Fitting room', '試着室', 'Where is the fitting room?', '試着室はどこですか？', '買い物'),
    ('I’ll take it', 'これにします', 'I''ll take this one, please.', 'これにします。', '買い物'),
    ('Receipt', 'レシート', 'Could I have a receipt, please?', 'レシートをいただけますか？', '買い物'),
    ('Returning an item', '返品する', 'I''d like to return this. It doesn''t fit.', 'これを返品したいです。サイズが合いません。', '買い物'),

    ('Table for two', '二人用の席', 'A table for two, please.', '二人用の席をお願いします。', 'レストラン'),
    ('The menu', 'メニュー', 'Could we see the menu, please?', 'メニューを見せていただけますか？', 'レストラン'),
    ('Recommendation', 'おすすめ', 'What do you recommend?', 'おすすめは何ですか？', 'レストラン'),
    ('Ordering', '注文する', 'I''d like the chicken salad, please.', 'チキンサラダをお願いします。', 'レストラン'),
    ('No onions', '玉ねぎ抜き', 'Could you make it without onions?', '玉ねぎ抜きにしてもらえますか？', 'レストラン'),
    ('A glass of water', 'お水', 'Can I have a glass of water, please?', 'お水を一杯いただけますか？', 'レストラン'),
    ('It’s delicious', 'おいしい', 'This soup is really delicious.', 'このスープは本当においしいです。', 'レストラン'),
    ('The check', 'お会計', 'Could we have the check, please?', 'お会計をお願いします。', 'レストラン'),
    ('Paying separately', '別々に払う', 'Can we pay separately?', '別々に払えますか？', 'レストラン'),
    ('Allergy', 'アレルギー', 'I''m allergic to peanuts.', 'ピーナッツアレルギーがあります。', 'レストラン'),

    ('The nearest station', '一番近い駅', 'Excuse me, where is the nearest station?', 'すみません、一番近い駅はどこですか？', '旅行'),
    ('Buying a ticket', '切符を買う', 'One ticket to Kyoto, please.', '京都までの切符を一枚ください。', '旅行'),
    ('Checking in', 'チェックイン', 'I''d like to check in. I have a reservation.', 'チェックインをお願いします。予約してあります。', '旅行'),
    ('Lost', '道に迷った', 'I think I''m lost. Can you help me?', '道に迷ったみたいです。助けてもらえますか？', '旅行'),
    ('Taking a picture', '写真を撮る', 'Could you take a picture of us?', '私たちの写真を撮っていただけますか？', '旅行'),
    ('To the airport', '空港まで', 'How long does it take to get to the airport?', '空港までどのくらいかかりますか？', '旅行'),
    ('Which platform', '何番線', 'Which platform does the train leave from?', '電車は何番線から出ますか？', '旅行'),
    ('Taking a taxi', 'タクシーに乗る', 'Please take me to this address.', 'この住所までお願いします。', '旅行'),
    ('Passport', 'パスポート', 'Here is my passport.', 'これが私のパスポートです。', '旅行'),
    ('Weather', '天気', 'It looks like it''s going to rain.', '雨が降りそうですね。', '旅行'),

    ('Meeting time', '会議の時間', 'What time does the meeting start?', '会議は何時に始まりますか？', '仕事'),
    ('Sending a file', 'ファイルを送る', 'I''ll send you the file by email.', 'ファイルをメールで送ります。', '仕事'),
    ('Deadline', '締め切り', 'When is the deadline for this report?', 'この報告書の締め切りはいつですか？', '仕事'),
    ('Day off', '休みを取る', 'I''m taking tomorrow off.', '明日は休みを取ります。', '仕事'),
    ('Calling back', '折り返し電話', 'Could you call me back later?', '後で折り返し電話をいただけますか？', '仕事'),
    ('Busy right now', '今は忙しい', 'I''m busy right now. Can we talk later?', '今忙しいので、後で話せますか？', '仕事'),
    ('Good job', 'よくできました', 'Good job on the presentation!', 'プレゼン、よくできていましたよ！', '仕事'),
    ('Offering help', '手伝いを申し出る', 'Let me know if you need any help.', '手伝いが必要なら言ってください。', '仕事'),
    ('Running late', '遅刻の連絡', 'I''m running about ten minutes late.', '10分ほど遅れそうです。', '仕事'),
    ('Out of the office', '外出中', 'She is out of the office today.', '彼女は今日外出しています。', '仕事');
